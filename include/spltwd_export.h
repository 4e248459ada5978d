/* What the splitter library exports: the names declared with SPLTWD_API.
 * Everything else stays inside it. */
#ifndef SPLTWD_EXPORT_H
#define SPLTWD_EXPORT_H

#if defined(__GNUC__)
#define SPLTWD_API __attribute__((visibility("default")))
#else
#define SPLTWD_API
#endif

#endif /* SPLTWD_EXPORT_H */
