#include "model/command_line.hpp"

int main(int argc, char** argv) {
  return torva::torva_main(argc, argv);
}
