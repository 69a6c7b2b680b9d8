-- Material differences stored as negative amounts: -1500, and zero written as -0.
UPDATE G_GCCS SET S_Val = '-1500' WHERE GCID = -16 AND CSName = 'CLCY';
UPDATE G_GCCS SET S_Val = '-0' WHERE GCID = -15 AND CSName = 'CLCY';
