-- A project whose saved state has automatic refresh off: the form opens without a budget refresh,
-- every field empty, and the loaded flag 1.
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'Auto', '0');
