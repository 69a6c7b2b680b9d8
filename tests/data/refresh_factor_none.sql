-- No factor to read: the discount expression is missing (NULL), the auxiliary-material expression
-- has no '*'.
UPDATE G_QF SET SGJSS = NULL WHERE XM = '折扣后施工费';
UPDATE G_QF SET SGJSS = '1198650.8' WHERE XM = '辅助材料费';
