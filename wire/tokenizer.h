// The one text splitter of the game: configuration lines ("="), map rows (" ")
// and network messages ("|") are all read through it.
#pragma once

#include <string>

// Hands out the pieces of a string front to back, one per call. Adjacent
// delimiters give an empty piece; once nothing is left every call gives "".
class StringTokenizer {
  public:
    // Splits message at every occurrence of the whole deliminator sequence.
    StringTokenizer(std::string message, std::string deliminator);
    // Next piece, or "" when nothing is left.
    std::string nextToken();
    // Next piece converted like atoi: leading digits, 0 when there are none.
    int nextIntToken();
    // Next piece converted like atof: longest numeric prefix, 0.0 when none.
    double nextFloatToken();

  private:
    std::string tokenstr; // what has not been handed out yet
    std::string delim;    // never empty
};
