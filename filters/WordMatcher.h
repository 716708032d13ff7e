// filters/WordMatcher.h: the one word and wildcard matcher behind every text criterion.
#pragma once

// Tests `text` against one word or pattern of a criterion:
// - a pattern holding "**" is a plain substring, asterisks included, found without
//   regard to case and without boundaries;
// - a pattern without "*" is a word: its FIRST occurrence decides, and it must have the
//   text's start or a delimiter before it and the text's end or a delimiter after it;
// - otherwise the pattern is literal segments cut at "*": the first stands at the very
//   start of the text, the others follow in order (the middle ones found without regard
//   to case whatever the flag), and the last is followed by a delimiter or the text's
//   end; a pattern ending in "*" may be followed by anything.
// `delimiters` lists the characters that may stand next to a word (empty: a word must
// fill the text). `caseSensitive` 1 compares exactly, anything else without regard to
// case. Returns 1 on a match, else 0; an empty or missing pattern never matches.
[[nodiscard]] int MatchPattern(const char* text, const char* pattern, const char* delimiters,
                               int caseSensitive);
