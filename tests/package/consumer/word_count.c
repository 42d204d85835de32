/* Counting the words of a text. */
#include "word_count.h"

#include <ctype.h>

int CountWords(const char *text) {
    int count = 0;
    int inWord = 0;
    for (; *text != '\0'; ++text) {
        const int isLetter = isalpha((unsigned char)*text) != 0;
        if (isLetter && !inWord) {
            ++count;
        }
        inWord = isLetter;
    }
    return count;
}
