// A timed key combination: keys pressed one after another, each within its
// step's time limit of the one before. Fires once, in the frame in which the
// last key is pressed. Only a fresh press of the expected key counts; any
// other key neither advances nor resets the sequence. Steps are timed with one
// of the frame timer's stopwatches, or by the length of the last frame when
// every stopwatch is taken.
//
// Every evaluation writes the sequence's progress to the console: "Combo "
// followed by each accepted key code and a blank.
#pragma once

#include "input/Trigger.h"

class SequenceTrigger : public Trigger {
public:
    // Takes ownership of keys and of stepLimits (both made with new[]); see Set.
    SequenceTrigger(int* keys, int count, float* stepLimits, float defaultLimit);

    int Check() override;
    ~SequenceTrigger() override;
    // Frees the arrays and the stopwatch and forgets the sequence.
    virtual void Clear();
    // Replaces the sequence. stepLimits[i] is the longest time, in seconds,
    // between accepting key i-1 and key i (element 0 is never read); without
    // it every step gets defaultLimit. Returns 1.
    virtual int Set(int* keys, int count, float* stepLimits, float defaultLimit);
    // Only remembered for the next Set without limits; the current limits stay.
    virtual void SetDefaultLimit(float seconds);

    int stopwatch;  // times the current step; -1 when none is held
    int* keys;      // owned, count DIK codes, first key first
    int count;
    float* stepLimits;   // owned, count entries, seconds
    float defaultLimit;  // seconds
    int progress;        // keys accepted so far

private:
    // Back to the start, giving the stopwatch back.
    void Restart();
    void WriteProgress() const;
};
