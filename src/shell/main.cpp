#include "shell/Application.h"

int main(int argc, char** argv) {
    return morvanex::shell::Application::Main(argc, argv);
}
