#include "input/SequenceTrigger.h"

#include <string>

#include "app/App.h"
#include "app/FrameTimer.h"
#include "input/InputManager.h"

SequenceTrigger::SequenceTrigger(int* keys, int count, float* stepLimits, float defaultLimit)
    : stopwatch(FrameTimer::kNoStopwatch),
      keys(nullptr),
      count(0),
      stepLimits(nullptr),
      defaultLimit(0.0f),
      progress(0) {
    Set(keys, count, stepLimits, defaultLimit);
}

SequenceTrigger::~SequenceTrigger() {
    SequenceTrigger::Clear();
}

void SequenceTrigger::Clear() {
    delete[] keys;
    delete[] stepLimits;
    // A trigger dropped halfway through a sequence must not keep its stopwatch.
    if (timer != nullptr) timer->StopStopwatch(stopwatch);
    keys = nullptr;
    stepLimits = nullptr;
    count = 0;
    progress = 0;
    stopwatch = FrameTimer::kNoStopwatch;
}

int SequenceTrigger::Set(int* keys, int count, float* stepLimits, float defaultLimit) {
    Clear();
    this->keys = keys;
    this->count = count;
    this->defaultLimit = defaultLimit;
    if (stepLimits != nullptr) {
        this->stepLimits = stepLimits;
    } else if (count > 0) {
        this->stepLimits = new float[count];
        this->stepLimits[0] = 0.0f;
        for (int i = 1; i < count; ++i) this->stepLimits[i] = defaultLimit;
    }
    progress = 0;
    return 1;
}

void SequenceTrigger::SetDefaultLimit(float seconds) {
    defaultLimit = seconds;
}

int SequenceTrigger::Check() {
    WriteProgress();
    if (keys == nullptr || count <= 0) return 0;

    // One press moves the sequence on by one step at most, so a sequence
    // with a key twice in a row needs two presses.
    if (progress == 0) {
        if (manager->KeyPressed(keys[0])) {
            stopwatch = timer->StartStopwatch();
            progress = 1;
        }
    } else {
        float elapsed = timer->StopwatchSeconds(stopwatch);
        if (elapsed >= stepLimits[progress]) {
            // Too late, whether or not the expected key came now.
            Restart();
        } else if (manager->KeyPressed(keys[progress])) {
            ++progress;
            timer->RestartStopwatch(stopwatch);
        }
    }

    if (progress >= count) {
        Restart();
        return 1;
    }
    return 0;
}

void SequenceTrigger::Restart() {
    progress = 0;
    timer->StopStopwatch(stopwatch);
    stopwatch = FrameTimer::kNoStopwatch;
}

void SequenceTrigger::WriteProgress() const {
    // Without an App (a tool, a test) there is no console to write to.
    if (theApp == nullptr) return;
    std::string line = "Combo ";
    for (int i = 0; i < progress; ++i) {
        line += std::to_string(keys[i]);
        line += ' ';
    }
    line += '\n';
    theApp->console << line;
}
