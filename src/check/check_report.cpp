#include <windows.h>

#include "check/check.h"
#include "check/check_items.h"
#include "product/product.h"
#include "registry/path_buffer.h"
#include "text/text.h"

static const char RootName[] = "HKLM\\";

void WriteLine(DWORD standardHandle, const char* text)
{
    HANDLE output = GetStdHandle(standardHandle);
    DWORD written;

    if (output == NULL || output == INVALID_HANDLE_VALUE)
        return;
    WriteFile(output, text, (DWORD)TextLength(text), &written, NULL);
    WriteFile(output, "\r\n", 2, &written, NULL);
}

// Digits of a count, most significant first.
BOOL AppendCount(char* buffer, size_t size, int count)
{
    char digits[16];
    int i = (int)sizeof(digits) - 1;

    digits[i] = '\0';
    do {
        digits[--i] = (char)('0' + count % 10);
        count /= 10;
    } while (count > 0 && i > 0);
    return AppendPath(buffer, size, digits + i);
}

void ReportItem(const char* kind, const char* path, const char* note)
{
    char line[LINE_SIZE];

    // Every piece is bounded by the line's size, so a line is whole or not written.
    if (CopyPath(line, sizeof(line), kind) && AppendPath(line, sizeof(line), " ")
        && AppendPath(line, sizeof(line), RootName) && AppendPath(line, sizeof(line), path)
        && AppendPath(line, sizeof(line), note))
        WriteLine(STD_OUTPUT_HANDLE, line);
}

void ReportUnreadable(CHECK_TALLY* tally, const char* path)
{
    tally->unreadable++;
    ReportItem("unreadable key", path, "");
}

// "N present, the next run removes M, K left that no run removes"
// The summary's words are few: they always fit the line.
static void AppendCounts(char* line, size_t size, const CHECK_TALLY* tally)
{
    AppendCount(line, size, tally->removable + tally->staying);
    AppendPath(line, size, " present");
    if (tally->removable > 0) {
        AppendPath(line, size, ", the next run removes ");
        AppendCount(line, size, tally->removable);
    }
    if (tally->staying > 0) {
        AppendPath(line, size, ", ");
        AppendCount(line, size, tally->staying);
        AppendPath(line, size, " left that no run removes");
    }
}

int ReportSummary(const CHECK_TALLY* tally)
{
    char line[LINE_SIZE];

    if (tally->unreadable > 0) {
        CopyPath(line, sizeof(line), "result: unknown (");
        AppendCount(line, sizeof(line), tally->unreadable);
        AppendPath(line, sizeof(line), " unreadable");
        if (tally->removable + tally->staying > 0) {
            AppendPath(line, sizeof(line), "; ");
            AppendCounts(line, sizeof(line), tally);
        }
        AppendPath(line, sizeof(line), ")");
        WriteLine(STD_OUTPUT_HANDLE, line);
        return CHECK_UNKNOWN;
    }
    if (tally->removable > 0) {
        CopyPath(line, sizeof(line), "result: run again (");
    } else if (tally->staying > 0) {
        CopyPath(line, sizeof(line), "result: stays (");
    } else {
        WriteLine(STD_OUTPUT_HANDLE, "result: clean");
        return CHECK_CLEAN;
    }
    AppendCounts(line, sizeof(line), tally);
    AppendPath(line, sizeof(line), ")");
    WriteLine(STD_OUTPUT_HANDLE, line);
    return CHECK_PRESENT;
}
