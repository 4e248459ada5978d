from typing import Final, Iterable, Iterator, Literal

DialectName = Literal["generic", "oracle", "sqlserver", "db2", "mysql", "postgresql", "postgres", "informix"]
ProfileName = Literal["accurate", "classic"]

DIALECTS: Final[dict[str, int]]

class SplitError(ValueError):
    """A classic-profile split failed; code is the library's result."""

    code: int

class Word:
    """One word of a statement."""

    @property
    def text(self) -> str:
        """The word's bytes as text (UTF-8, other bytes by 'surrogateescape')."""
    @property
    def raw(self) -> bytes:
        """The word's bytes."""
    @property
    def type(self) -> int:
        """The word type code."""
    @property
    def type_name(self) -> str:
        """The word type's name, such as 'select', 'name' or 'space'."""
    @property
    def mask(self) -> int:
        """The word mask; 0x1000 marks a string, name or comment left open."""
    @property
    def start(self) -> int | None:
        """Offset of the word's first byte in the statement; None under the classic profile."""
    @property
    def end(self) -> int | None:
        """Offset just past the word's last byte; None under the classic profile."""
    @property
    def unterminated(self) -> bool:
        """True for a string, quoted name, comment or body left open."""

class Digest:
    """The digest of one statement."""

    @property
    def fingerprint(self) -> int:
        """FNV-1a, 64 bits, of the normalised text's bytes."""
    @property
    def fingerprint_hex(self) -> str:
        """The fingerprint as 16 lowercase hexadecimal digits."""
    @property
    def kind(self) -> str:
        """The statement's verb upper-cased, or 'OTHER'."""
    @property
    def tables(self) -> list[str]:
        """The names after FROM, JOIN, INTO, UPDATE and TABLE, as written."""
    @property
    def normalized(self) -> str:
        """Comments dropped, literals as '?', words lower-cased but quoted names."""
    def __hash__(self) -> int: ...

class Statement:
    """One statement of a script."""

    @property
    def text(self) -> str:
        """The statement as text, without the blanks before it and its ';'."""
    @property
    def raw(self) -> bytes:
        """The statement's bytes."""
    @property
    def start(self) -> int:
        """Offset of the statement's first byte in the script's bytes."""
    @property
    def end(self) -> int:
        """Offset just past the statement's last byte."""

def split(
    sql: str | bytes, dialect: DialectName | str | int = "mysql", profile: ProfileName | int = "accurate"
) -> list[Word]:
    """Split one statement into its words."""

def statements(
    script: str | bytes, dialect: DialectName | str | int = "mysql", profile: ProfileName | int = "accurate"
) -> Iterator[Statement]:
    """Cut a script into its statements, lazily."""

def digest(sql: str | bytes, dialect: DialectName | str | int = "mysql") -> Digest:
    """Digest one statement, read as the accurate profile reads the dialect."""

def digest_many(
    statements: Iterable[str | bytes], dialect: DialectName | str | int = "mysql", threads: int | None = None
) -> list[Digest]:
    """Digest many statements, in order, on several threads without the interpreter lock."""
