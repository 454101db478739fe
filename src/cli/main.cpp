#include "cli/CommandLine.h"
#include "platform/Clock.h"

int main(int argc, char** argv) {
    morvanex::platform::FixTimeZone();
    return morvanex::cli::RunCommandLine(argc, argv);
}
