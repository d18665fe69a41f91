#include "tarn/alignment/alignment.h"

namespace tarn::alignment {

double Alignment::length() const {
    double total = 0.0;
    for (const Element& e : elements) {
        total += e.length;
    }
    return total;
}

} // namespace tarn::alignment
