SELECT id::text, created_at::date FROM events WHERE payload->>'kind' = 'click';

SELECT U&"name" FROM "Users" WHERE flags = B'1010' OR mask = X'1F';

SELECT $body$It's a dollar-quoted string$body$ AS greeting;

CREATE INDEX events_kind_idx ON events ((payload->>'kind'));
