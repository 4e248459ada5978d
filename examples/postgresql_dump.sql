--
-- PostgreSQL database dump
--

\restrict 5gXnM0aZ

SET statement_timeout = 0;
SET client_encoding = 'UTF8';
SELECT pg_catalog.set_config('search_path', '', false);

CREATE TABLE public.notes (
    id integer NOT NULL,
    body text
);

CREATE FUNCTION public.note_count() RETURNS bigint
    LANGUAGE sql
    AS $$SELECT count(*) FROM public.notes;$$;

COPY public.notes (id, body) FROM stdin;
1	it's; "quoted" \\ and a tab:\there
2	line one\nline two; DROP TABLE notes;
3	\N
\.

\connect archive

CREATE TABLE public.old_notes (id integer);

\unrestrict 5gXnM0aZ
