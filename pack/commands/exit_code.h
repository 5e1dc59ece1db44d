// The packer's exit codes, the same for every command.
#pragma once

enum ExitCode : int {
    exitOk = 0,
    // The quiz source breaks a rule (every problem is listed), a verdict test
    // or a typed line fails, nothing could be imported, or the folder already
    // has a quiz.
    exitQuizErrors = 1,
    // The arguments are wrong, or the output would replace an input.
    exitUsage = 2,
    // A file cannot be read or written, or the stored contents do not read
    // back as the quiz.
    exitInternal = 3,
    // The player or quiz executable cannot be used.
    exitBadExecutable = 4,
};
