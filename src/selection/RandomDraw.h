// The random draws of random and error tests: question ids drawn per topic group without
// repetition with the program's generator.
#pragma once

#include <QVector>

#include <functional>

using TIdList = QVector<qint64>;

namespace RandomDraw {

// Draws `count` of the candidates (clamped to 0 .. their number): each draw takes candidate
// RandomIndex(left) of the candidates left, and the ones behind it move up one place. Appends the
// drawn ids to `drawn`. Runs in O(n + count log n), so large banks stay fast.
void DrawFrom(const TIdList& candidates, int count, TIdList& drawn);

// One topic group of a random test: its candidates (in query order) and the count wanted.
struct TGroup
{
    TIdList candidates;
    int wanted = 0;
};

// The ids of a random test, group after group; the generator is used as it stands (the caller
// seeds it once per draw).
TIdList DrawTest(const QVector<TGroup>& groups);

// One topic group of a random error test. Without the top-up: up to `wanted` of the pupil's
// wrong answers. With it: every wrong answer of the group, and when they are fewer than `wanted`,
// a draw from the group's questions at the pupil's level up to `wanted`; `levelCandidates` is
// asked only then. A group with `wanted` 0 or less gives nothing.
void DrawErrorGroup(const TIdList& errors, int wanted, bool topUp,
                    const std::function<TIdList()>& levelCandidates, TIdList& drawn);

struct TErrorGroup
{
    TIdList errors;
    TIdList levelCandidates;
    int wanted = 0;
};

TIdList DrawErrorTest(const QVector<TErrorGroup>& groups, bool topUp);

} // namespace RandomDraw
