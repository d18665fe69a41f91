// The IP table reader and the solver behind it: any bytes are read as a
// table (UTF-8 or CP932, detected), and whatever reads is solved and
// stationed. Invariants: a refusal carries a message and no points; a solved
// line is contiguous and its main points run in order along it.
#include "fuzz_input.h"
#include "tarn/alignment/ip_table.h"
#include "tarn/alignment/solver.h"
#include "tarn/alignment/stations.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

using namespace tarn::alignment;
using tarn::fuzz::require;

void check_solution(const Solution& s) {
    if (!s.ok()) {
        for (const InputError& e : s.errors) {
            require(!e.message.empty(), "a refusal says why");
        }
        return;
    }
    const Alignment& a = s.alignment;
    double last = 0.0;
    for (const MainPoint& m : a.main_points) {
        require(std::isfinite(m.distance) && std::isfinite(m.point.x) && std::isfinite(m.point.y),
                "a solved line's main points are finite");
        require(m.distance + 1e-9 >= last, "main points run in order");
        last = m.distance;
    }
    const double length = a.length();
    if (!std::isfinite(length) || length > 1e7 || a.elements.size() > 1000) {
        return; // huge inputs: the checks below would only take time
    }
    for (std::size_t i = 0; i + 1 < a.elements.size(); ++i) {
        const Element& e = a.elements[i];
        const Point end = evaluate(e, e.length).point;
        const Point next = a.elements[i + 1].start;
        const double scale = 1.0 + std::fabs(end.x) + std::fabs(end.y);
        require(std::fabs(end.x - next.x) <= 1e-9 * scale &&
                    std::fabs(end.y - next.y) <= 1e-9 * scale,
                "elements join");
    }
    if (length > 0 && length < 1e5) {
        const std::vector<CentreStake> all = stakes(a, {std::max(1.0, length / 50), 0, 1, 1, true});
        require(!all.empty(), "a line has stakes");
        const Locator locator(a);
        const Pose mid = pose_at(a, 0.5 * length).pose;
        const Locator::Hit hit = locator.locate(mid.point);
        require(std::fabs(hit.offset) < 1e-6 * (1.0 + length), "a point of the line lies on it");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IpTable table = read_ip_table(bytes);
    if (!table.ok()) {
        require(table.points.empty(), "a refused table has no points");
        require(!table.errors.front().message.empty(), "a refusal says why");
        return 0;
    }
    require(table.points.size() >= 2, "a table has BP and EP");
    check_solution(solve(std::move(table.points)));
    return 0;
}
