INSERT INTO authors VALUES ('O\'Reilly', 'C:\\', "say ""hi""");
SELECT 1--1, `a b`, `c;d` FROM t; # a comment, kept as a word
