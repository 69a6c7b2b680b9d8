-- Saved fields of a project closed before: automatic refresh off, three labour-day rows.
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'Auto', '0');
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'T_5', '1.000');
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'T_15', '2.000');
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'T_16', '3.000');
