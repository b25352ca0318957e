#include "tool_main.h"

int main(int argc, char** argv) { return tool_main(std::vector<std::string>(argv + 1, argv + argc)); }
