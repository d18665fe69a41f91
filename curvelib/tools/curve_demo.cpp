// Draws the centre line and a widened parallel line of one clothoid with the
// library and prints the drawing scripts it wrote.
#include "curvelib.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {
void print_script(const char* title) {
    std::ifstream in("auto_temp.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::cout << "--- " << title << "\n" << text.str() << "\n";
}
} // namespace

int main() {
    // A = 100 m from KA (0, 0) to the 50 m point, side point below the chord,
    // one vertex every 10 m, metre drawing.
    const double p1x = 49.92193149366025, p1y = 2.0810093401773635;
    if (tarn5(0, 0, p1x, p1y, 25, -5, 100, 10, 0) != TARN_OK) {
        std::cerr << "centre line refused\n";
        return 1;
    }
    print_script("centre line (tarn5)");
    if (tarn6(0, 0, p1x, p1y, 25, -5, 100, 10, 0, 3, 0.5, 2.0) != TARN_OK) {
        std::cerr << "parallel line refused\n";
        return 1;
    }
    print_script("parallel line 3 m, widening 0.5 m, fourth-degree law (tarn6)");
    std::cout << "--- curve length (tarn4): " << tarn4(0, 0, p1x, p1y, 25, -5, 100, 0) << " m\n";
    return 0;
}
