#include <iostream>

#include "offline_command.h"

int main(int argc, char** argv)
{
    return qalm::RunOfflineCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
