#include "host/values.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace flumpet::host {

NodeId InExcludeList::idAt(int32_t index) const {
    if (index < 0 || index >= count()) return NoNode;
    return entries_[static_cast<size_t>(index)];
}

int32_t InExcludeList::indexOf(NodeId id) const {
    if (id == NoNode) return -1;
    const auto it = std::find(entries_.begin(), entries_.end(), id);
    return it == entries_.end() ? -1 : static_cast<int32_t>(it - entries_.begin());
}

bool InExcludeList::deleteAt(int32_t index) {
    if (index < 0 || index >= count()) return false;
    entries_.erase(entries_.begin() + index);
    return true;
}

int32_t SplineCurve::insertKnot(double x, double y) {
    const auto it = std::upper_bound(knots_.begin(), knots_.end(), x,
                                     [](double value, const Knot& k) { return value < k.x; });
    const auto placed = knots_.insert(it, Knot{x, y});
    return static_cast<int32_t>(placed - knots_.begin());
}

double SplineCurve::valueAt(double x) const {
    const size_t n = knots_.size();
    if (n == 0) return 0.0;
    if (n == 1 || x <= knots_.front().x) return knots_.front().y;
    if (x >= knots_.back().x) return knots_.back().y;

    // Secant slopes, then Fritsch-Carlson tangents that keep each span monotone.
    auto secant = [&](size_t i) {
        const double dx = knots_[i + 1].x - knots_[i].x;
        return dx == 0.0 ? 0.0 : (knots_[i + 1].y - knots_[i].y) / dx;
    };
    auto tangent = [&](size_t i) {
        if (i == 0) return secant(0);
        if (i == n - 1) return secant(n - 2);
        const double a = secant(i - 1), b = secant(i);
        if (a * b <= 0.0) return 0.0;
        // Harmonic mean: at most twice the smaller secant, which keeps the span monotone.
        return 2.0 * a * b / (a + b);
    };

    const auto upper = std::upper_bound(knots_.begin(), knots_.end(), x,
                                        [](double value, const Knot& k) { return value < k.x; });
    const size_t i = static_cast<size_t>(upper - knots_.begin()) - 1;
    const Knot& k0 = knots_[i];
    const Knot& k1 = knots_[i + 1];
    const double h = k1.x - k0.x;
    if (h == 0.0) return k1.y;
    const double t = (x - k0.x) / h;
    const double t2 = t * t, t3 = t2 * t;
    const double h00 = 2 * t3 - 3 * t2 + 1, h10 = t3 - 2 * t2 + t, h01 = -2 * t3 + 3 * t2, h11 = t3 - t2;
    return h00 * k0.y + h10 * h * tangent(i) + h01 * k1.y + h11 * h * tangent(i + 1);
}

bool DescID::isPartOf(const DescID& other) const {
    if (levels_.empty() || levels_.size() > other.levels_.size()) return false;
    for (size_t i = 0; i < levels_.size(); ++i) {
        const DescLevel& a = levels_[i];
        const DescLevel& b = other.levels_[i];
        if (a.id != b.id) return false;
        if (a.dtype != 0 && b.dtype != 0 && a.dtype != b.dtype) return false;
        if (a.creator != 0 && b.creator != 0 && a.creator != b.creator) return false;
    }
    return true;
}

const char* valueKindName(const Value& v) {
    static constexpr const char* names[] = {"none",   "int",  "float", "bool",      "string", "vector",
                                            "matrix", "time", "link",  "inexclude", "curve",  "container",
                                            "custom"};
    static_assert(std::size(names) == std::variant_size_v<Value>);
    return names[v.index()];
}

const Value* Container::find(int32_t id) const& {
    const auto it = values_.find(id);
    return it == values_.end() ? nullptr : &it->second;
}

namespace {
template <typename T> const T* typed(const Container& c, int32_t id) {
    const Value* v = c.find(id);
    return v ? std::get_if<T>(v) : nullptr;
}
} // namespace

int32_t Container::getInt(int32_t id, int32_t fallback) const {
    const Value* v = find(id);
    if (!v) return fallback;
    if (const auto* i = std::get_if<int32_t>(v)) return *i;
    // Bools read as integers, as switches are often read that way.
    if (const auto* b = std::get_if<bool>(v)) return *b ? 1 : 0;
    return fallback;
}

double numberValue(const Value& v, double fallback) {
    if (const auto* d = std::get_if<double>(&v)) return *d;
    // Files and scripts often store a whole number where a float belongs (a strength of 1).
    if (const auto* i = std::get_if<int32_t>(&v)) return static_cast<double>(*i);
    return fallback;
}

double Container::getFloat(int32_t id, double fallback) const {
    const Value* v = find(id);
    return v ? numberValue(*v, fallback) : fallback;
}

bool switchValue(const Value& v, bool fallback) {
    if (const auto* b = std::get_if<bool>(&v)) return *b;
    if (const auto* i = std::get_if<int32_t>(&v)) return *i != 0;
    return fallback;
}

bool Container::getBool(int32_t id, bool fallback) const {
    const Value* v = find(id);
    return v ? switchValue(*v, fallback) : fallback;
}

std::string Container::getString(int32_t id, const std::string& fallback) const {
    const auto* p = typed<std::string>(*this, id);
    return p ? *p : fallback;
}

Vector Container::getVector(int32_t id, const Vector& fallback) const {
    const auto* p = typed<Vector>(*this, id);
    return p ? *p : fallback;
}

Matrix Container::getMatrix(int32_t id, const Matrix& fallback) const {
    const auto* p = typed<Matrix>(*this, id);
    return p ? *p : fallback;
}

Time Container::getTime(int32_t id, const Time& fallback) const {
    const auto* p = typed<Time>(*this, id);
    return p ? *p : fallback;
}

NodeId Container::getLinkId(int32_t id) const {
    const auto* p = typed<Link>(*this, id);
    return p ? p->id : NoNode;
}

CustomData* Container::customDataWritable(int32_t id, int32_t type) & {
    const auto it = values_.find(id);
    auto* data = it == values_.end() ? nullptr : std::get_if<CustomData>(&it->second);
    return data && data->type == type ? data : nullptr;
}

const CustomData* Container::customData(int32_t id, int32_t type) const& {
    const CustomData* data = typed<CustomData>(*this, id);
    return data && data->type == type ? data : nullptr;
}

const InExcludeList* Container::getInExclude(int32_t id) const& { return typed<InExcludeList>(*this, id); }

const SplineCurve* Container::getCurve(int32_t id) const& { return typed<SplineCurve>(*this, id); }

Container Container::getContainer(int32_t id) const {
    const auto* p = typed<std::shared_ptr<const Container>>(*this, id);
    return (p && *p) ? **p : Container{};
}

bool valuesEqual(const Value& a, const Value& b) {
    if (a.index() != b.index()) return false;
    if (const auto* ca = std::get_if<std::shared_ptr<const Container>>(&a)) {
        const auto& cb = std::get<std::shared_ptr<const Container>>(b);
        if (!*ca || !cb) return !*ca && !cb;
        return **ca == *cb;
    }
    return a == b;
}

bool Container::operator==(const Container& o) const {
    if (values_.size() != o.values_.size()) return false;
    auto it = o.values_.begin();
    for (const auto& [id, value] : values_) {
        if (id != it->first || !valuesEqual(value, it->second)) return false;
        ++it;
    }
    return true;
}

} // namespace flumpet::host
