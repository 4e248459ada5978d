"""SQL statements split into words, cut from scripts, and digested.

The words of a statement as its database server reads them, each with a
word type, a mask and its byte range; the statements of a script, cut at
the separators the dialect reads as such; and statement digests (the
normalised text, its fingerprint, the verb and the tables), for many
statements at once on several threads.

    >>> import spltwd
    >>> [w.text for w in spltwd.split("SELECT a FROM t") if w.type_name != "space"]
    ['SELECT', 'a', 'FROM', 't']

Statements are str (read as UTF-8) or bytes (read as they are).  Byte
offsets (start, end) count bytes of that UTF-8; texts decode it with
'surrogateescape', so that bytes that are not UTF-8 come back unchanged
when a text is encoded the same way.  Dialects by name -- generic,
oracle, sqlserver, db2, mysql (the default), postgresql, informix -- or
by code (DIALECTS).
"""
from ._spltwd import (
    DIALECTS,
    Digest,
    SplitError,
    Statement,
    Word,
    digest,
    digest_many,
    split,
    statements,
)

__all__ = [
    "DIALECTS",
    "Digest",
    "SplitError",
    "Statement",
    "Word",
    "digest",
    "digest_many",
    "split",
    "statements",
]

for _function in (digest, digest_many, split, statements):
    _function.__module__ = __name__
del _function
