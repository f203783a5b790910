// Parameter values: the types a node's container holds, and the identifiers that address them.
#pragma once

#include "host/math.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace flumpet::host {

/// Identity of a node (object, tag, document). Never reused while the host runs, so a stale
/// id answers "gone" instead of reaching another node. 0 is no node.
using NodeId = uint64_t;
inline constexpr NodeId NoNode = 0;

/// A weak reference to a node: resolved in a document on each use, null once the node is gone.
struct Link {
    NodeId id = NoNode;
    constexpr bool operator==(const Link&) const = default;
};

/// A time as a fraction of seconds.
struct Time {
    int64_t numerator = 0;
    int64_t denominator = 1;
    constexpr bool operator==(const Time&) const = default;
    double seconds() const { return denominator == 0 ? 0.0 : double(numerator) / double(denominator); }
};

/// In/exclude list data: an ordered list of weak node references.
class InExcludeList {
  public:
    int32_t count() const { return static_cast<int32_t>(entries_.size()); }
    /// The id at index, NoNode when out of range; resolve it in a document before use.
    NodeId idAt(int32_t index) const;
    /// Index of the first entry naming id, -1 when absent.
    int32_t indexOf(NodeId id) const;
    void insert(NodeId id) { entries_.push_back(id); }
    /// False when the index is out of range.
    bool deleteAt(int32_t index);
    const std::vector<NodeId>& ids() const { return entries_; }
    bool operator==(const InExcludeList&) const = default;

  private:
    std::vector<NodeId> entries_;
};

/// Spline curve data: knots (x, y) sorted by x, evaluated with monotone cubic (Fritsch-Carlson)
/// interpolation, so the curve is smooth, passes through every knot and never overshoots them.
/// Outside the first and last knot the curve keeps the end values.
class SplineCurve {
  public:
    struct Knot {
        double x = 0.0, y = 0.0;
        bool operator==(const Knot&) const = default;
    };
    /// Inserts a knot in x order; a knot at an existing x goes after it. Returns its index.
    int32_t insertKnot(double x, double y);
    /// The curve's y at x; 0 without knots.
    double valueAt(double x) const;
    const std::vector<Knot>& knots() const { return knots_; }
    bool operator==(const SplineCurve&) const = default;

  private:
    std::vector<Knot> knots_;
};

/// One level of a description identifier.
struct DescLevel {
    int32_t id = 0;
    int32_t dtype = 0;
    int32_t creator = 0;
    constexpr bool operator==(const DescLevel&) const = default;
};

/// Description identifier: one or more levels (a parameter, then e.g. a vector component).
class DescID {
  public:
    DescID() = default;
    explicit DescID(int32_t id) : levels_{{id, 0, 0}} {}
    DescID(DescLevel a) : levels_{a} {}
    DescID(DescLevel a, DescLevel b) : levels_{a, b} {}
    int32_t depth() const { return static_cast<int32_t>(levels_.size()); }
    const DescLevel& operator[](int32_t i) const { return levels_[static_cast<size_t>(i)]; }
    /// The first level's id, 0 when empty.
    int32_t firstId() const { return levels_.empty() ? 0 : levels_[0].id; }
    void pushLevel(DescLevel level) { levels_.push_back(level); }
    /// True when this equals other or is a leading part of it; ids compare, and data type and
    /// creator compare only where both sides give them (0 is "any").
    bool isPartOf(const DescID& other) const;
    bool operator==(const DescID&) const = default;

  private:
    std::vector<DescLevel> levels_;
};

/// A value of a type the host defines and the module only carries: its type id and its bytes,
/// which the module never reads.
struct CustomData {
    int32_t type = 0;
    std::vector<uint8_t> bytes;
    bool operator==(const CustomData&) const = default;
};

class Container;

/// A parameter value. Sub-containers are held by pointer so the type can nest.
using Value = std::variant<std::monostate, int32_t, double, bool, std::string, Vector, Matrix, Time, Link,
                           InExcludeList, SplineCurve, std::shared_ptr<const Container>, CustomData>;

/// Name of the value's kind ("int", "float" ...), for messages and files.
const char* valueKindName(const Value& v);

/// A switch as hosts read it: a bool, or an integer (non-zero is on); fallback for anything else.
bool switchValue(const Value& v, bool fallback);

/// A number as hosts read it: a float, or an integer widened; fallback for anything else.
double numberValue(const Value& v, double fallback);

/// A node's parameter container: values by id, in id order. Copying copies the values.
class Container {
  public:
    bool has(int32_t id) const { return values_.count(id) != 0; }
    const Value* find(int32_t id) const&;
    const Value* find(int32_t id) const&& = delete;
    void set(int32_t id, Value v) { values_[id] = std::move(v); }
    bool remove(int32_t id) { return values_.erase(id) != 0; }
    const std::map<int32_t, Value>& values() const { return values_; }

    int32_t getInt(int32_t id, int32_t fallback = 0) const;
    /// A number whatever its stored kind: a float, or an integer widened.
    double getFloat(int32_t id, double fallback = 0.0) const;
    /// A switch: a bool, or an integer (non-zero is on).
    bool getBool(int32_t id, bool fallback = false) const;
    std::string getString(int32_t id, const std::string& fallback = {}) const;
    Vector getVector(int32_t id, const Vector& fallback = {}) const;
    Matrix getMatrix(int32_t id, const Matrix& fallback = {}) const;
    Time getTime(int32_t id, const Time& fallback = {}) const;
    /// The linked id without resolving it; NoNode when the entry is not a link.
    NodeId getLinkId(int32_t id) const;
    /// Pointers into the container: only from a container that outlives their use.
    const InExcludeList* getInExclude(int32_t id) const&;
    const InExcludeList* getInExclude(int32_t id) const&& = delete;
    const SplineCurve* getCurve(int32_t id) const&;
    const SplineCurve* getCurve(int32_t id) const&& = delete;
    /// A copy of the sub-container at id, empty when there is none.
    Container getContainer(int32_t id) const;
    /// The custom data of a type at id, to change in place; null when the entry holds no custom
    /// data of that type.
    CustomData* customDataWritable(int32_t id, int32_t type) &;
    const CustomData* customData(int32_t id, int32_t type) const&;
    const CustomData* customData(int32_t id, int32_t type) const&& = delete;

    void setInt(int32_t id, int32_t v) { set(id, v); }
    void setFloat(int32_t id, double v) { set(id, v); }
    void setBool(int32_t id, bool v) { set(id, v); }
    void setString(int32_t id, std::string v) { set(id, std::move(v)); }
    void setVector(int32_t id, const Vector& v) { set(id, v); }
    void setMatrix(int32_t id, const Matrix& v) { set(id, v); }
    void setTime(int32_t id, const Time& v) { set(id, v); }
    void setLink(int32_t id, NodeId node) { set(id, Link{node}); }
    void setContainer(int32_t id, Container c) { set(id, std::make_shared<const Container>(std::move(c))); }
    void setCustomData(int32_t id, CustomData data) { set(id, std::move(data)); }

    bool operator==(const Container& o) const;

  private:
    std::map<int32_t, Value> values_;
};

/// Deep equality of values (sub-containers by content).
bool valuesEqual(const Value& a, const Value& b);

} // namespace flumpet::host
