// The main of a test program whose tests call COM objects on its one
// apartment thread. Apart from run_com_tests, so that a program with a main
// of its own can call that alone.
#include "tarn/testsupport/com_tests.h"

int main(int argc, char** argv) {
    return tarn::testsupport::run_com_tests(argc, argv);
}
