// Prints docs/cards.md: `build/tools/examplegen/cardsdoc > docs/cards.md`.
#include <cstdio>

#include "cards_doc.hpp"

int main() {
  std::fputs(torva::cards_markdown().c_str(), stdout);
  return 0;
}
