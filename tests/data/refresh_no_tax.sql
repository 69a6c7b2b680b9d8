-- The budget has no item 税金: the tax row of every refreshed column shows 0.
DELETE FROM G_QF WHERE XM = '税金';
