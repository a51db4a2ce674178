#include <iostream>

#include "preview_command.h"

int main(int argc, char** argv)
{
    return qalm::RunPreviewCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
