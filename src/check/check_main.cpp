#include <windows.h>

#include "check/check.h"
#include "check/check_items.h"
#include "platform/platform_mode.h"
#include "product/product.h"
#include "registry/buffer_sizes.h"
#include "registry/path_buffer.h"

static const char* const UsageLines[] = {
    "Usage: qalm-check [/?]",
    "Tells whether anything that qalm-uninstall removes on this Windows version is still",
    "present. It reads the registry and changes nothing; run it as an administrator.",
    "",
    "One line per item still present, then the result:",
    "  present key|value|instances N PATH   the next uninstaller run removes it",
    "  stays key|value PATH (...)           no uninstaller run removes it",
    "  unreadable key PATH                  this account may not read it",
    "  result: clean | run again (...) | stays (...) | unknown (...)",
    "",
    "Exit code: 0 nothing present, 1 something present, 2 cannot tell.",
    NULL,
};

static BOOL IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The next word at or after text; its end goes to *end.
static const char* FindWord(const char* text, const char** end)
{
    while (IsBlank(*text))
        text++;
    *end = text;
    while (**end != '\0' && !IsBlank(**end))
        (*end)++;
    return text;
}

// "qalm-check: unknown argument "WORD" ...", the word cut to the buffer.
static void ReportArgument(const char* word, const char* end)
{
    char line[LINE_SIZE];
    char argument[KEY_NAME_SIZE];
    int length = 0;

    while (word + length < end && length < (int)sizeof(argument) - 1) {
        argument[length] = word[length];
        length++;
    }
    argument[length] = '\0';
    CopyPath(line, sizeof(line), "qalm-check: unknown argument \"");
    AppendPath(line, sizeof(line), argument);
    AppendPath(line, sizeof(line), "\": it takes none but /?");
    WriteLine(STD_ERROR_HANDLE, line);
}

int CheckMain(const char* arguments)
{
    const char* end;
    const char* word = FindWord(arguments, &end);
    int i;

    if (word == end) {
        return RunCheck(DetectPlatformMode());
    }
    if (end - word == 2 && word[0] == '/' && word[1] == '?') {
        word = FindWord(end, &end);
        if (word == end) {
            for (i = 0; UsageLines[i] != NULL; i++)
                WriteLine(STD_OUTPUT_HANDLE, UsageLines[i]);
            return CHECK_CLEAN;
        }
    }
    ReportArgument(word, end);
    return CHECK_UNKNOWN;
}
