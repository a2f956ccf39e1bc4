#include "registers/RegMapStuff.h"

#include <initializer_list>

namespace {

// The register map window's tree: roots, their groups, and the table indices each group lists.
constexpr std::array<std::string_view, 3> TreeRoots{"General", "Temperature", "Fan"};

struct TreeGroup {
    int root;
    std::string_view name;
    std::array<int, 11> registers;
    int count;
};

constexpr TreeGroup group(int root, std::string_view name, std::initializer_list<int> registers) {
    TreeGroup g{root, name, {}, 0};
    for (int r : registers)
        g.registers[g.count++] = r;
    return g;
}

constexpr std::array TreeGroups{
    group(0, "Configuration", {32, 84, 72, 73}),
    group(0, "Status", {33, 34, 82, 83, 22}),
    group(0, "ID/Revision", {30, 29, 31}),
    group(0, "Test", {23, 28, 87}),
    group(0, "GPIO", {96, 97, 95}),
    group(1, "Control", {89, 90, 91, 94, 98}),
    group(1, "Readings", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 88}),
    group(1, "High Limits", {37, 39, 41, 43, 45, 47, 49, 51, 53, 55}),
    group(1, "Low Limits", {36, 38, 40, 42, 44, 46, 48, 50, 52, 54}),
    group(2, "Fan Control", {92, 93, 85, 86, 35, 99}),
    group(2, "Fan1", {18, 24, 74, 10, 11, 56, 57, 64, 65}),
    group(2, "Fan2", {19, 25, 75, 12, 13, 58, 59, 66, 67}),
    group(2, "Fan3", {20, 26, 76, 14, 15, 60, 61, 68, 69}),
    group(2, "Fan4", {21, 27, 77, 16, 17, 62, 63, 70, 71}),
};

constexpr int treeNodeCount() {
    int n = static_cast<int>(TreeRoots.size() + TreeGroups.size());
    for (const TreeGroup& g : TreeGroups)
        n += g.count;
    return n;
}
static_assert(treeNodeCount() == 113);

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QStringList SplitBitNames(const RegisterEntry& entry) {
    QStringList names = toQString(entry.BitNames).split(QLatin1Char(':'));
    // Callers index positions 0 to 7 unchecked, so a malformed list is cut or padded to eight.
    names.resize(8);
    return names;
}

QString RegisterName(const RegisterEntry& entry) {
    return toQString(entry.Name);
}

QString RegisterDescription(const RegisterEntry& entry) {
    return toQString(entry.Description);
}

QList<RegisterTreeNode> RegisterTreeNodes() {
    QList<RegisterTreeNode> nodes;
    nodes.reserve(treeNodeCount());
    for (int root = 0; root < static_cast<int>(TreeRoots.size()); ++root) {
        const int rootNode = static_cast<int>(nodes.size());
        nodes.append({0, toQString(TreeRoots[root]), -1, -1});
        for (const TreeGroup& g : TreeGroups) {
            if (g.root != root) continue;
            const int groupNode = static_cast<int>(nodes.size());
            nodes.append({1, toQString(g.name), rootNode, -1});
            for (int k = 0; k < g.count; ++k) {
                const int index = g.registers[k];
                nodes.append({2, RegisterName(RegisterAt(index)), groupNode, index});
            }
        }
    }
    return nodes;
}
