-- The discounted construction fee calculated as 500*0.9: discount factor 0.9.
UPDATE G_QF SET SGJSS = '500*0.9' WHERE XM = '折扣后施工费';
