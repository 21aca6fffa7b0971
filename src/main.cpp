// The pellburne program.
#include "editor/Pellburne.h"

int main(int argc, char** argv) { return PellburneMain(argc, argv); }
