#include "core/session.h"

#include <cstring>

#include "config/settings.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/pending.h"
#include "platform/registry.h"

const char SessionValueName[] = "Session";

namespace {

// Little-endian int32s: column, row, screen width, screen height, then origin x, origin y and
// flags. Earlier runs wrote only the first four.
constexpr std::uint32_t RecordSize = 28;
constexpr std::uint32_t OldRecordSize = 16;
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
    PutInt(data + 16, 0);
    PutInt(data + 20, 0);
    recordedPending = AnyMovePending();
    PutInt(data + 24, recordedPending ? MovesPendingFlag : 0);
    // Best effort: without the record only the recovery after a kill is lost.
    plat::RegSetValueExA(settingsKeys.preferences, SessionValueName, 0, plat::REG_BINARY, data,
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
                          std::uint32_t size, int screenWidth, int screenHeight, int columns,
                          int rows) {
    if (!found) return {Recovery::None, 0, 0};
    // A record we cannot read still says the last run did not end cleanly.
    if (type != plat::REG_BINARY || (size != RecordSize && size != OldRecordSize) || !data)
        return {Recovery::Fold, 0, 0};
    // The desktop is known, but not where the hung windows ended up.
    if (size == RecordSize && (ReadInt(data + 24) & MovesPendingFlag)) return {Recovery::Fold, 0, 0};
    const std::int32_t column = ReadInt(data), row = ReadInt(data + 4);
    const bool sameScreen = ReadInt(data + 8) == screenWidth && ReadInt(data + 12) == screenHeight;
    const bool inGrid = column >= 0 && column < columns && row >= 0 && row < rows;
    if (!sameScreen || !inGrid) return {Recovery::Fold, 0, 0};
    if (column == 0 && row == 0) return {Recovery::None, 0, 0};
    return {Recovery::Adopt, column, row};
}

RecoveryPlan RecoverPreviousRun() {
    RecoveryPlan plan{Recovery::None, 0, 0};
    if (settingsKeys.preferences) {
        std::uint8_t data[RecordSize + 1] = {};
        std::uint32_t type = 0, size = sizeof data;
        const long rc = plat::RegQueryValueExA(settingsKeys.preferences, SessionValueName,
                                               nullptr, &type, data, &size);
        const bool found = rc == plat::ERROR_SUCCESS || rc == plat::ERROR_MORE_DATA;
        plan = PlanRecovery(found, type, rc == plat::ERROR_SUCCESS ? data : nullptr, size,
                            desktop.screenWidth, desktop.screenHeight, desktop.columns,
                            desktop.rows);
    }
    if (plan.action == Recovery::Adopt) {
        desktop.currentColumn = plan.column;
        desktop.currentRow = plan.row;
    } else if (plan.action == Recovery::Fold) {
        CompressDesktop(false);
    }
    ArmSessionRecord();
    return plan;
}

void RefreshSessionRecord() {
    if (armed && recordedPending && !AnyMovePending()) WriteRecord();
}

void ArmSessionRecord() {
    armed = true;
    WriteRecord();
}

void DisarmSessionRecord() {
    if (!armed) return;
    armed = false;
    if (settingsKeys.preferences) plat::RegDeleteValueA(settingsKeys.preferences, SessionValueName);
}
