// Control ids of the header panel.
#pragma once

enum HeaderControlId {
    idLink = 24,
    idByLabel = 25,
    idAuthor = 26,
    idSave = 27,
    idDescription = 28,
    idTitle = 29,
    idCode = 30,
    idCodeLabel = 31,
    idScore = 32,
    idHideSolved = 33,
    idScoreRule = 120,
    idLeftRule = 121,
    idRightRule = 122,
};
