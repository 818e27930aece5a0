#pragma once

#include <QString>

class TDocumentFile;

// Going back to an earlier generation of the document. The state the user has now is saved
// first as a generation of its own, so a revert can itself be reverted; then the chosen
// generation's lock copy becomes the document through the ordinary save road, which the other
// instances follow.
class TDocumentRevert
{
public:
    enum TResult {
        rvCancelled,  // the user said no, or there is nothing to revert
        rvSaveFailed, // the present state could not be saved: nothing changed
        rvLoadFailed, // the chosen generation could not be read: the document is as saved
        rvSaveRevertedFailed, // the reverted state could not be saved: the document is as saved
        rvReverted
    };

    // Asks, then reverts the document to generation folder `generation`. Every failure has
    // been told to the user.
    static TResult RevertToFile(TDocumentFile &file, const QString &generation);
};
