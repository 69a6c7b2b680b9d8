-- Saved state for the design-fee scenarios: automatic refresh off, so that the form opens with
-- only the figures each script sets itself (no budget refresh at start-up).
INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'Auto', '0');
