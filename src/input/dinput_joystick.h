#pragma once
#include <atomic>
#include <cstdint>

#include "platform/input.h"

// The part of a game controller's record that is plain arithmetic: which axes
// it has, their eased readings, and when a run of failed reads calls for
// acquiring the device again. The DirectInput calls around it live in dinput.cpp.
namespace input {

constexpr int kMaxJoysticks = 4;

// The axes whose readings are taken from the controller's state; any other
// axis (a slider, say) is counted but reads 0.
enum class AxisKind { kX, kY, kZ, kRotationX, kRotationY, kRotationZ, kOther };

// One extended state's axis positions, in the -1000 .. 1000 range the axes are set to.
struct AxisPositions {
    long x = 0, y = 0, z = 0;
    long rotationX = 0, rotationY = 0, rotationZ = 0;
};

struct JoystickRecord {
    float values[platform::kMaxJoystickAxes] = {};
    AxisKind kinds[platform::kMaxJoystickAxes] = {};
    int axisCount = 0;
    float smoothing = 1.0f;
    int failedReads = 0;

    // Records the next axis found on the device; false (and nothing recorded)
    // once every slot is taken.
    bool AddAxis(AxisKind kind);
    // A state read succeeded: the recorded axes ease towards it.
    void ReadSucceeded(const AxisPositions& positions);
    // A state read failed: the readings keep their last values. True when the
    // device should be acquired again, which is from the fifth failure in a row on.
    bool ReadFailed();
};

// Hands controller samples from the poll thread to the main thread. The poll
// thread polls the devices only while no samples wait, the main thread reads
// the devices only while they do, so the two never use a device at once.
class SampleHandoff {
public:
    // Poll thread: may the devices be polled now?
    bool MayPoll() const { return !ready_.load(std::memory_order_acquire); }
    // Poll thread: every device has been polled.
    void Publish() { ready_.store(true, std::memory_order_release); }
    // Main thread: are fresh samples waiting to be read?
    bool Ready() const { return ready_.load(std::memory_order_acquire); }
    // Main thread: the samples have been read; polling may go on. Must come
    // after the reads, not before, or the poll thread would poll a device
    // that is still being read.
    void Consumed() { ready_.store(false, std::memory_order_release); }

private:
    std::atomic<bool> ready_{false};
};

}  // namespace input
