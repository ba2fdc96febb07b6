// brisvel-console: the tuning console's executable.

#include "app/application.h"

int main(int argc, char** argv) { return brisvel::app::RunConsole(argc, argv); }
