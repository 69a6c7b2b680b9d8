-- A discount expression ending in '*': its factor is the empty text, which is no number.
UPDATE G_QF SET SGJSS = '756000*' WHERE XM = '折扣后施工费';
