-- Expressions with several '*': the factor is what follows the last one, as written ("0.90").
UPDATE G_QF SET SGJSS = '2*500*0.90' WHERE XM = '折扣后施工费';
UPDATE G_QF SET SGJSS = '10*2*0.05' WHERE XM = '辅助材料费';
