-- The tables of a line's database, for a database whose stations may not create tables
-- (quarnel runs the same statements when a table is missing). Run once as the owner:
--   psql -d line -f quarnel.sql
CREATE TABLE IF NOT EXISTS quarnel_counters (name text PRIMARY KEY, next bigint NOT NULL);
CREATE TABLE IF NOT EXISTS quarnel_log (time timestamptz NOT NULL, station text, site text, adapter text, port text, device text, signature text, serial bigint, image_crc32 text, fuses text, result text NOT NULL, status integer NOT NULL, seconds numeric);
