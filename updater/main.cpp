// The updater program: unpacks a downloaded program update over the installation and starts
// the viewer again.
#include "TForm1.h"

int main(int argc, char** argv) { return RunUpdater(argc, argv); }
