-- Budget data partly missing: no labour-day group of the submission (GCID -12), no other-fees row of
-- the first review (DepID 3), no material difference of the audited budget (GCID -15).
DELETE FROM G_GCCS WHERE GCID IN (-12, -15);
DELETE FROM P_ZHZ WHERE GCID = 32000 AND DepID = 3;
