#include "core/session.h"

#include <cstring>

#include "config/settings.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/display.h"
#include "core/pending.h"
#include "platform/registry.h"

const char SessionValueName[] = "Session";

namespace {

// Little-endian int32s: column, row, width, height, origin x, origin y, flags. Runs before
// the virtual screen had an origin wrote the first four alone.
constexpr std::uint32_t RecordSize = 28;
constexpr std::uint32_t OldRecordSize = 16;
// Beyond any real arrangement of monitors: a record outside it was not written by a run, and
// laying windows out from it could send them anywhere.
constexpr std::int32_t LargestScreen = 1 << 18;
constexpr std::int32_t SmallestScreen = 64;
// Moves of hung windows were still pending: their windows are not where the desktop says.
constexpr std::int32_t MovesPendingFlag = 1;
bool armed = false;
bool recordedPending = false;

std::int32_t ReadInt(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return static_cast<std::int32_t>(v);
}

void PutInt(std::uint8_t* p, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, v >>= 8) p[i] = static_cast<std::uint8_t>(v & 0xFF);
}

void WriteRecord() {
    if (!settingsKeys.preferences) return;
    std::uint8_t data[RecordSize];
    PutInt(data, desktop.currentColumn);
    PutInt(data + 4, desktop.currentRow);
    PutInt(data + 8, desktop.screenWidth);
    PutInt(data + 12, desktop.screenHeight);
    PutInt(data + 16, desktop.originX);
    PutInt(data + 20, desktop.originY);
    recordedPending = AnyMovePending();
    PutInt(data + 24, recordedPending ? MovesPendingFlag : 0);
    // Best effort: without the record only the recovery after a kill is lost.
    plat::RegSetValueEx(settingsKeys.preferences, SessionValueName, 0, plat::REG_BINARY, data,
                         RecordSize);
}

}  // namespace

void SetCurrentDesktop(int column, int row) {
    if (column == desktop.currentColumn && row == desktop.currentRow) return;
    desktop.currentColumn = column;
    desktop.currentRow = row;
    if (armed) WriteRecord();
}

RecoveryPlan PlanRecovery(bool found, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t size, const ScreenGeometry& now, int columns, int rows) {
    RecoveryPlan plan{Recovery::None, 0, 0, 0, 0, 0, 0};
    if (!found) return plan;
    plan.action = Recovery::Fold;
    // A record we cannot read still says the last run did not end cleanly.
    if (type != plat::REG_BINARY || (size != RecordSize && size != OldRecordSize) || !data)
        return plan;
    // The desktop is known, but not where the hung windows ended up.
    if (size == RecordSize && (ReadInt(data + 24) & MovesPendingFlag)) return plan;
    const std::int32_t column = ReadInt(data), row = ReadInt(data + 4);
    plan.width = ReadInt(data + 8);
    plan.height = ReadInt(data + 12);
    if (size == RecordSize) {
        plan.originX = ReadInt(data + 16);
        plan.originY = ReadInt(data + 20);
    }
    const bool inGrid = column >= 0 && column < columns && row >= 0 && row < rows;
    const auto within = [](std::int64_t v, std::int64_t lo) { return v >= lo && v <= LargestScreen; };
    if (!inGrid || !within(plan.width, SmallestScreen) || !within(plan.height, SmallestScreen) ||
        !within(plan.originX < 0 ? -std::int64_t{plan.originX} : plan.originX, 0) ||
        !within(plan.originY < 0 ? -std::int64_t{plan.originY} : plan.originY, 0))
        return plan;
    plan.column = column;
    plan.row = row;
    if (plan.width != now.width || plan.height != now.height || plan.originX != now.originX ||
        plan.originY != now.originY)
        plan.action = Recovery::Relayout;
    else
        plan.action = column == 0 && row == 0 ? Recovery::None : Recovery::Adopt;
    return plan;
}

RecoveryPlan RecoverPreviousRun() {
    RecoveryPlan plan{Recovery::None, 0, 0, 0, 0, 0, 0};
    if (settingsKeys.preferences) {
        std::uint8_t data[RecordSize + 1] = {};
        std::uint32_t type = 0, size = sizeof data;
        const long rc = plat::RegQueryValueEx(settingsKeys.preferences, SessionValueName,
                                               nullptr, &type, data, &size);
        const bool found = rc == plat::ERROR_SUCCESS || rc == plat::ERROR_MORE_DATA;
        plan = PlanRecovery(found, type, rc == plat::ERROR_SUCCESS ? data : nullptr, size,
                            CurrentGeometry(), desktop.columns, desktop.rows);
    }
    if (plan.action == Recovery::Adopt || plan.action == Recovery::Relayout) {
        desktop.currentColumn = plan.column;
        desktop.currentRow = plan.row;
    }
    if (plan.action == Recovery::Relayout) {
        ScreenGeometry recorded{};
        recorded.originX = plan.originX;
        recorded.originY = plan.originY;
        recorded.width = plan.width;
        recorded.height = plan.height;
        const ScreenGeometry now = CurrentGeometry();
        ChangeGeometry(recorded, now, desktop.workWidth, desktop.workHeight);
    } else if (plan.action == Recovery::Fold) {
        CompressDesktop(false);
    }
    ArmSessionRecord();
    return plan;
}

void ArmSessionRecord() {
    armed = true;
    WriteRecord();
}

void RefreshSessionRecord() {
    if (armed) WriteRecord();
}

void RefreshSessionRecordWhenSettled() {
    if (armed && recordedPending && !AnyMovePending()) WriteRecord();
}

void DisarmSessionRecord() {
    if (!armed) return;
    armed = false;
    if (settingsKeys.preferences) plat::RegDeleteValue(settingsKeys.preferences, SessionValueName);
}
