#include "platform/services.h"
#include "startup/startup.h"

int main(int argc, char** argv) { return platform::RunProgram(argc, argv, &basComon::Main); }
