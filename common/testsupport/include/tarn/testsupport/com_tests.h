// Running GoogleTest in a program whose tests use COM on the main thread.
// Windows only.
#pragma once

namespace tarn::testsupport {

// Initialises GoogleTest and a single-threaded apartment, runs every test and
// leaves the apartment; 2 when COM could not be initialised.
int run_com_tests(int& argc, char** argv);

} // namespace tarn::testsupport
