-- Material differences of nothing, written two ways.
UPDATE G_GCCS SET S_Val = '0' WHERE GCID = -16 AND CSName = 'CLCY';
UPDATE G_GCCS SET S_Val = '0.00' WHERE GCID = -15 AND CSName = 'CLCY';
