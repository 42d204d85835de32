/* Counting the words of a text: the code the consumer project tests. */
#ifndef WORD_COUNT_H
#define WORD_COUNT_H

/* Words are runs of letters; anything else separates them. */
int CountWords(const char *text);

#endif
