-- Saved fields from an earlier close, and a trigger (another program's) that refuses every new row:
-- each key's insert fails alike while the rest of the save goes on.
INSERT INTO G_GCCS(GCID,CSName,S_Val) VALUES(-1,'Auto','0');
INSERT INTO G_GCCS(GCID,CSName,S_Val) VALUES(-1,'T_47','旧标题');
CREATE TRIGGER refuse_new_rows BEFORE INSERT ON G_GCCS BEGIN SELECT RAISE(ABORT, 'refused'); END;
