// The random draws of random and error tests.
#include "RandomDraw.h"

#include "data/Public.h"

#include <algorithm>

namespace RandomDraw {

namespace {

// A Fenwick tree over the candidates' positions, 1 where a candidate is still left, so that the
// i-th candidate left is found in log n steps instead of shifting the rest of the list.
class TLeftCandidates
{
public:
    explicit TLeftCandidates(int n) : m_tree(n + 1), m_top(1)
    {
        for (int i = 1; i <= n; ++i)
            m_tree[i] = i & -i; // every position starts as present
        while (m_top * 2 <= n)
            m_top *= 2;
    }

    // Removes and returns the position (0-based) of the index-th (0-based) candidate left.
    int take(int index)
    {
        const int n = int(m_tree.size()) - 1;
        int pos = 0;
        int rest = index + 1;
        for (int step = m_top; step > 0; step /= 2) {
            const int next = pos + step;
            if (next <= n && m_tree[next] < rest) {
                pos = next;
                rest -= m_tree[next];
            }
        }
        for (int i = pos + 1; i <= n; i += i & -i)
            --m_tree[i];
        return pos;
    }

private:
    QVector<int> m_tree;
    int m_top;
};

} // namespace

void DrawFrom(const TIdList& candidates, int count, TIdList& drawn)
{
    const int n = int(candidates.size());
    count = std::clamp(count, 0, n);
    if (count == 0)
        return;
    TLeftCandidates left(n);
    drawn.reserve(drawn.size() + count);
    for (int k = 0; k < count; ++k)
        drawn.append(candidates[left.take(RandomIndex(n - k))]);
}

TIdList DrawTest(const QVector<TGroup>& groups)
{
    TIdList drawn;
    for (const TGroup& g : groups)
        DrawFrom(g.candidates, g.wanted, drawn);
    return drawn;
}

void DrawErrorGroup(const TIdList& errors, int wanted, bool topUp,
                    const std::function<TIdList()>& levelCandidates, TIdList& drawn)
{
    const int errorCount = int(errors.size());
    if (!topUp && errorCount < wanted)
        wanted = errorCount;
    if (wanted <= 0)
        return;
    if (!topUp) {
        DrawFrom(errors, wanted, drawn);
        return;
    }
    // All wrong answers are taken, also when there are more than wanted.
    drawn += errors;
    const int more = wanted - errorCount;
    if (more > 0 && levelCandidates)
        DrawFrom(levelCandidates(), more, drawn);
}

TIdList DrawErrorTest(const QVector<TErrorGroup>& groups, bool topUp)
{
    TIdList drawn;
    for (const TErrorGroup& g : groups)
        DrawErrorGroup(
            g.errors, g.wanted, topUp, [&g] { return g.levelCandidates; }, drawn);
    return drawn;
}

} // namespace RandomDraw
