/*
 * How test_split_word reports trouble: one line on standard error, and an
 * exit status that tells a usage mistake from a failed run.
 */
#ifndef KU_ERROR_H
#define KU_ERROR_H

enum Ku_ExitStatus {
    KU_EXIT_SUCCESS = 0,
    KU_EXIT_FAILURE = 1, /* a file, buffer, write or split's memory failed */
    KU_EXIT_USAGE = 2,   /* the command line cannot be used */
};

/* Prints "test_split_word: ", the formatted message and a line feed on
 * standard error. */
void Ku_PrintError(const char *format, ...) __attribute__((format(printf, 1, 2)));

#endif /* KU_ERROR_H */
