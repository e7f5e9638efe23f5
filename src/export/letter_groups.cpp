#include "export/letter_groups.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "labels/letter_geometry.h"

namespace {

// Moves a letter's corners from its own frame into the frame of a group anchored
// at `anchor` and turned by `angle`, and its heights from the ground under its
// centre to the ground under the anchor.
void intoGroupFrame(LabelLetter& letter, float ground, MapPoint anchor, float angle, float anchorGround) {
    const double ca = std::cos(static_cast<double>(letter.angle)), sa = std::sin(static_cast<double>(letter.angle));
    const double cg = std::cos(static_cast<double>(angle)), sg = std::sin(static_cast<double>(angle));
    for (int i = 0; i < 4; ++i) {
        const double x = letter.corners[i].x, y = letter.corners[i].y;
        const double dx = letter.anchor.x + (ca * x - sa * y) - anchor.x;
        const double dy = letter.anchor.y + (sa * x + ca * y) - anchor.y;
        letter.corners[i] = MapPoint{static_cast<float>(cg * dx + sg * dy), static_cast<float>(cg * dy - sg * dx)};
        letter.cornerZ[i] = static_cast<float>(static_cast<double>(letter.cornerZ[i]) + ground - anchorGround);
    }
    letter.anchor = anchor;
    letter.angle = angle;
}

bool sameGroupShape(const LetterGroup& a, const LetterGroup& b) {
    if (a.letters.size() != b.letters.size()) return false;
    for (size_t i = 0; i < a.letters.size(); ++i)
        if (!sameShape(a.letters[i], b.letters[i])) return false;
    return true;
}

// Groups can only match when they hold the same characters with the same italics,
// and merging never changes those: the search compares a group only with the later
// groups of its bucket.
std::u32string shapeKey(const LetterGroup& group) {
    std::u32string key;
    for (const LabelLetter& letter : group.letters) {
        key.push_back(letter.ch);
        key.push_back(letter.italic);
    }
    return key;
}

// The duplicate search of single letters, group for letter: each group is compared
// with the later groups of its own label, then label by label with one match per
// label at most (the first in that label); every match evens out both groups' letters.
int linkDuplicates(GroupPlan& plan) {
    const size_t total = plan.groups.size();
    std::vector<size_t> labelOf(total);
    for (size_t j = 0; j + 1 < plan.labelStart.size(); ++j)
        for (size_t g = plan.labelStart[j]; g < plan.labelStart[j + 1]; ++g) labelOf[g] = j;
    std::unordered_map<std::u32string, std::vector<size_t>> buckets;
    std::vector<std::pair<const std::vector<size_t>*, size_t>> place(total);  // each group's bucket and index in it
    for (size_t g = 0; g < total; ++g) buckets[shapeKey(plan.groups[g])].push_back(g);
    for (const auto& [key, members] : buckets)
        for (size_t i = 0; i < members.size(); ++i) place[members[i]] = {&members, i};

    int count = 0;
    for (size_t g = 0; g < total; ++g) {
        LetterGroup& group = plan.groups[g];
        group.representative = -1;
        const std::vector<size_t>& members = *place[g].first;
        size_t matchedLabel = SIZE_MAX;
        for (size_t i = place[g].second + 1; i < members.size(); ++i) {
            const size_t c = members[i];
            if (labelOf[c] == matchedLabel) continue;
            LetterGroup& candidate = plan.groups[c];
            if (!sameGroupShape(group, candidate)) continue;
            group.representative = static_cast<int>(c);
            for (size_t k = 0; k < group.letters.size(); ++k)
                mergeDuplicate(group.letters[k], candidate.letters[k], LetterRef{});
            matchedLabel = labelOf[c];
        }
        if (group.representative >= 0) ++count;
    }
    // Links only go to later groups: from the end backwards, each link's target
    // already leads to its representative.
    for (size_t g = plan.groups.size(); g-- > 0;) {
        int& link = plan.groups[g].representative;
        if (link >= 0 && plan.groups[static_cast<size_t>(link)].representative >= 0)
            link = plan.groups[static_cast<size_t>(link)].representative;
    }
    return count;
}

}  // namespace

ExportLetters buildExportLetters(const LabelList& labels, TerrainMesh& terrain, const GlyphAtlas& atlas,
                                 bool useIndex) {
    ExportLetters out;
    out.labels.resize(labels.size());
    out.ground.resize(labels.size());
    // The export names its objects after its own count of the letters, spaces
    // included, in label and letter order: the ids a freshly loaded store gives
    // them, whatever ids an editing session has handed out since.
    int id = 0;
    for (size_t j = 0; j < labels.size(); ++j) {
        for (const LabelLetter& source : labels[j].letters) {
            const int number = id++;
            if (source.ch == ' ') continue;
            LabelLetter letter = source;
            letter.id = number;
            letter.duplicate = LetterRef{};
            letter.icon = 0;
            out.ground[j].push_back(buildGeometry(letter, terrain, atlas, out.trace, useIndex));
            out.labels[j].push_back(letter);
            ++out.letters;
        }
    }
    return out;
}

GroupPlan groupLetters(const ExportLetters& letters, int n) {
    GroupPlan plan;
    plan.size = std::max(n, 1);
    const size_t step = static_cast<size_t>(plan.size);
    for (size_t j = 0; j < letters.labels.size(); ++j) {
        plan.labelStart.push_back(plan.groups.size());
        const std::vector<LabelLetter>& row = letters.labels[j];
        for (size_t start = 0; start < row.size(); start += step) {
            const size_t k = std::min(step, row.size() - start);
            const size_t middle = start + k / 2;
            LetterGroup group;
            group.anchor = row[middle].anchor;
            group.angle = row[middle].angle;
            group.letters.assign(row.begin() + static_cast<std::ptrdiff_t>(start),
                                 row.begin() + static_cast<std::ptrdiff_t>(start + k));
            // The middle letter already stands in the group's frame.
            for (size_t i = start; i < start + k; ++i)
                if (i != middle)
                    intoGroupFrame(group.letters[i - start], letters.ground[j][i], group.anchor, group.angle,
                                   letters.ground[j][middle]);
            plan.groups.push_back(std::move(group));
        }
    }
    plan.labelStart.push_back(plan.groups.size());
    plan.duplicates = linkDuplicates(plan);
    plan.meshes = static_cast<int>(plan.groups.size()) - plan.duplicates;
    return plan;
}

int longestLabel(const ExportLetters& letters) {
    size_t longest = 1;
    for (const std::vector<LabelLetter>& row : letters.labels) longest = std::max(longest, row.size());
    return static_cast<int>(longest);
}

bool meshesFit(long long icons, int meshes) { return meshes <= 0 || (icons >= 0 && icons + meshes <= 256); }

GroupChoice chooseGroups(const ExportLetters& letters, int setting, bool iconsKnown, long long icons) {
    GroupChoice choice;
    choice.plan = groupLetters(letters, setting > 0 ? setting : 1);
    if (!iconsKnown || meshesFit(icons, choice.plan.meshes)) return choice;
    const int longest = longestLabel(letters);
    if (setting <= 0) {
        // Auto: the smallest group size that fits; the numbers of a stop are those of one letter a mesh.
        for (int n = 2; n <= longest; ++n) {
            GroupPlan plan = groupLetters(letters, n);
            if (meshesFit(icons, plan.meshes)) {
                choice.plan = std::move(plan);
                return choice;
            }
            if (n == longest) choice.perLabelMeshes = plan.meshes;
        }
    }
    choice.fits = false;
    if (setting >= longest || longest == 1)
        choice.perLabelMeshes = choice.plan.meshes;
    else if (setting > 0)
        choice.perLabelMeshes = groupLetters(letters, longest).meshes;
    return choice;
}
