-- The tables of a project database that the audit form reads and writes.
-- G_GCCS: name/value rows grouped by GCID (-1: the form's saved fields; -12, -13, -10: labour days
--         and self-purchased materials of the three budgets; -16, -15: material differences).
-- G_QF:   fee items of the budget, with the amounts of the submitted (SGHJFY), first-review (SHHJFY)
--         and audited (HJFY) versions, and the item's calculation expression SGJSS.
-- P_ZHZ:  summary rows; other fees QTFY where GCID=32000 and LX>100, by DepID.
CREATE TABLE IF NOT EXISTS G_GCCS (GCID INTEGER, CSName TEXT, S_Val TEXT);
CREATE INDEX IF NOT EXISTS G_GCCS_GCID ON G_GCCS (GCID, CSName);
CREATE TABLE IF NOT EXISTS G_QF (XM TEXT, SGHJFY REAL, SHHJFY REAL, HJFY REAL, SGJSS TEXT);
CREATE INDEX IF NOT EXISTS G_QF_XM ON G_QF (XM);
CREATE TABLE IF NOT EXISTS P_ZHZ (GCID INTEGER, LX INTEGER, DepID INTEGER, QTFY REAL);
