-- Material differences with an explicit plus sign, and with blanks around an exponent form.
UPDATE G_GCCS SET S_Val = '+1500' WHERE GCID = -16 AND CSName = 'CLCY';
UPDATE G_GCCS SET S_Val = ' 1.2E3 ' WHERE GCID = -15 AND CSName = 'CLCY';
