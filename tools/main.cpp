#include <iostream>
#include <string>
#include <vector>

#include "Command.h"

int main(int argc, char** argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    return tool::RunTool(words, std::cout, std::cerr);
}
