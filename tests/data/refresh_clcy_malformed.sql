-- An audited material difference that is no number.
UPDATE G_GCCS SET S_Val = 'abc' WHERE GCID = -15 AND CSName = 'CLCY';
