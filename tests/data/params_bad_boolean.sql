-- Saved fields whose "YJGC" is no boolean: the load stops there, before "KCLX" and "KC".
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'Auto', '0');
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'D_2', '12.35');
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'T_46', '审计部');
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'YJGC', 'yes');
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'KCLX', '长途线路');
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'KC', '-1');
