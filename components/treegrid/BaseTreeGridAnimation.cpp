#include "treegrid/BaseTreeGrid.h"

#include <chrono>
#include <cmath>

#include <QCoreApplication>

// Animations run from a timer: each tick calls the callback with the current step, so the
// program never waits inside an animation.

namespace {

std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void TBaseTreeGrid::Animate(std::uint32_t steps, std::uint32_t duration, TTGAnimationCallback callback)
{
    if (Animating() || duration == 0 || steps == 0 || !callback)
        return;
    DoStateChange({tsInAnimation});
    FAnimation = TAnimationRun();
    FAnimation.Callback = std::move(callback);
    FAnimation.Steps = steps;
    FAnimation.StepSize = std::max(1, int(std::lround(double(steps) / duration)));
    FAnimation.RemainingSteps = std::max<std::int64_t>(1, steps / std::uint32_t(FAnimation.StepSize));
    FAnimation.RemainingTime = duration;
    FAnimation.LastTick = NowMs();
    // The first step comes at once, the others spread over what is left of the time.
    FAnimationTimer.start(0);
}

void TBaseTreeGrid::AnimationStep()
{
    if (!Animating() || QCoreApplication::closingDown()) {
        FinishAnimation();
        return;
    }
    const std::int64_t now = NowMs();
    const std::int64_t elapsed = now - FAnimation.LastTick;
    FAnimation.LastTick = now;
    const int step = int(std::int64_t(FAnimation.Steps) - FAnimation.RemainingSteps * FAnimation.StepSize);
    if (!FAnimation.Callback(std::max(step, 0), FAnimation.StepSize)) {
        FinishAnimation();
        return;
    }
    if (elapsed >= FAnimation.RemainingTime) {
        FAnimation.RemainingTime = 0;
        FAnimation.RemainingSteps = 0;
    } else {
        FAnimation.RemainingTime -= elapsed;
        --FAnimation.RemainingSteps;
    }
    if (FAnimation.RemainingSteps <= 0) {
        FinishAnimation();
        return;
    }
    // Each step gets at least a millisecond: fewer, larger steps when time runs short.
    while (FAnimation.RemainingTime / FAnimation.RemainingSteps < 1 && FAnimation.RemainingSteps > 1) {
        ++FAnimation.StepSize;
        const std::int64_t left = std::int64_t(FAnimation.Steps) - std::int64_t(step);
        FAnimation.RemainingSteps = std::max<std::int64_t>(1, left / FAnimation.StepSize);
    }
    FAnimationTimer.start(int(FAnimation.RemainingTime / FAnimation.RemainingSteps));
}

void TBaseTreeGrid::FinishAnimation()
{
    if (!Animating())
        return;
    FAnimationTimer.stop();
    TTGAnimationCallback callback = std::move(FAnimation.Callback);
    FAnimation = TAnimationRun();
    DoStateChange({}, {tsCancelHintAnimation, tsInAnimation});
    if (callback && !QCoreApplication::closingDown())
        callback(0, 0);
}

bool TBaseTreeGrid::AnimateToggle(PGridNode node, bool expanding, std::int64_t childrenHeight)
{
    if (!FOptions->AnimationOptions().contains(toAnimatedToggle) || FAnimationDuration == 0 || !isVisible()
        || FUpdateCount > 0 || FOptions->PaintOptions().contains(toChildrenAbove))
        return false;
    const QRect row = GetDisplayRect(node, NoColumn, false);
    const int top = RectBottom(row);
    const int clientHeight = ClientHeight();
    if (row.isNull() || top < 0 || top >= clientHeight)
        return false;
    const int distance = int(std::min<std::int64_t>(childrenHeight, clientHeight - top));
    if (distance <= 0)
        return false;
    FinishAnimation();
    // The row itself shows its new button at once.
    viewport()->update(row.intersected(viewport()->rect()));
    int done = 0;
    // Expanding pushes the rows below the node down, uncovering the children; collapsing
    // pulls them up over the children. Uncovered strips are painted from the new state.
    Animate(std::uint32_t(distance), FAnimationDuration,
            [this, top, distance, expanding, done](int, int stepSize) mutable {
                if (stepSize == 0) {
                    viewport()->update(MakeRect(0, top, ClientWidth(), ClientHeight()));
                    return false;
                }
                const int move = std::min(stepSize, distance - done);
                if (move <= 0)
                    return false;
                if (expanding)
                    viewport()->scroll(0, move, MakeRect(0, top + done, ClientWidth(), ClientHeight()));
                else
                    viewport()->scroll(0, -move, MakeRect(0, top, ClientWidth(), ClientHeight()));
                done += move;
                return done < distance;
            });
    return true;
}
