// The desktop's end of the program: the process exits.
#include "app/program_end.h"

#include <cstdlib>

void endProgram()
{
    std::exit(0);
}
