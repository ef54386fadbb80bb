// The program's entry.
#include "Application.h"
#include "StartUp.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    return RunProgram(TDM::Options{});
}
