-- Saved fields: a route length for the survey fee, and a first-review survey-and-design total that
-- is no number, so the auditor's total cannot be capped.
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'T_31', '12.5'), (-1, 'T_23', 'abc');
