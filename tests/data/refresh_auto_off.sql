-- Saved state with automatic refresh off.
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'Auto', '0');
