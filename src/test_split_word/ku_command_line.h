/*
 * The command line of test_split_word:
 *
 *     test_split_word -d dbvalue -i infile -o outfile
 *
 * with the three options in any order.  Each option is a whole argument and
 * the argument after it is its value, whatever that value looks like.
 */
#ifndef KU_COMMAND_LINE_H
#define KU_COMMAND_LINE_H

struct Ku_CommandLine {
    char file_src[1024];  /* input file name, at most 1023 bytes */
    char file_dest[1024]; /* output file name, at most 1023 bytes */
    int iDbType;          /* dialect code, 0 to 65535; 0 when -d is not given */
};

/* Fills cmd from the arguments.  Returns KU_EXIT_SUCCESS, or KU_EXIT_USAGE
 * after printing the usage text on standard output (wrong argument count;
 * its first line names the program as argv[0] does, "test_split_word" when
 * argv[0] is missing or empty) or one line on standard error (any other
 * mistake). */
int Ku_ParseCommandLine(int argc, const char *const argv[], Ku_CommandLine *cmd);

#endif /* KU_COMMAND_LINE_H */
