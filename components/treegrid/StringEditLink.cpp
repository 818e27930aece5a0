#include "treegrid/StringEditLink.h"

#include <QCoreApplication>
#include <QTextDocument>
#include <QTextOption>

#include "treegrid/CustomStringTreeGrid.h"
#include "treegrid/TreeGridColumns.h"
#include "treegrid/TreeGridEdit.h"
#include "treegrid/TreeGridHeader.h"

namespace {

// An edit narrower than this is hard to hit and to read.
constexpr int MinEditWidth = 30;

} // namespace

TStringEditLink::~TStringEditLink()
{
    if (FEdit)
        FEdit->deleteLater();
}

bool TStringEditLink::PrepareEdit(TBaseTreeGrid *tree, TGridNode *node, int column)
{
    FTree = qobject_cast<TCustomStringTreeGrid *>(tree);
    if (!FTree || !node)
        return false;
    FNode = node;
    FColumn = column;
    TFont font;
    QRect r;
    QString text;
    FTree->GetTextInfo(node, column, font, r, text);
    // The handlers asked for the text may have ended the edit, or removed the node.
    if (FStopping || FTree->IsRemoved(node))
        return false;

    const bool multiline = node->States.contains(vsMultiline);
    FEdit = new TTGEdit(shared_from_this(), multiline, FTree->viewport());
    FEdit->hide();
    FEdit->setFont(font.ToQFont());
    FEdit->setPlainText(text);
    FEdit->document()->setModified(false);

    TTreeGridColumns *columns = FTree->Header()->Columns();
    FAlignment = columns->IsValidColumn(column) ? columns->Items(column)->Alignment()
                 : FTree->Alignment() & Qt::AlignRight ? taRightJustify
                 : FTree->Alignment() & Qt::AlignHCenter ? taCenter
                                                         : taLeftJustify;
    if (FTree->layoutDirection() == Qt::RightToLeft && FAlignment != taCenter)
        FAlignment = FAlignment == taLeftJustify ? taRightJustify : taLeftJustify;
    QTextOption option = FEdit->document()->defaultTextOption();
    option.setAlignment(ToQtAlignment(FAlignment));
    FEdit->document()->setDefaultTextOption(option);
    FTextBounds = r;
    return true;
}

bool TStringEditLink::BeginEdit()
{
    if (!FStopping && FEdit) {
        FEdit->show();
        FEdit->selectAll();
        FEdit->setFocus();
    }
    return true;
}

void TStringEditLink::Finish(bool takeText)
{
    if (FStopping)
        return;
    FStopping = true;
    // Releasing the control may drop the last other reference to this link.
    const std::shared_ptr<TStringEditLink> self = shared_from_this();
    if (takeText && FEdit && FTree && FEdit->document()->isModified())
        FTree->SetText(FNode, FColumn, FEdit->toPlainText());
    if (FEdit) {
        FEdit->hide();
        FEdit->Release();
    }
}

bool TStringEditLink::EndEdit()
{
    // The tree may release its reference on the way.
    const std::shared_ptr<TStringEditLink> self = shared_from_this();
    const bool stopping = FStopping;
    Finish(true);
    // Ended here rather than by the tree: the tree must not stay editing without an editor.
    if (!stopping && FTree && FTree->EditLink() == this && !FTree->StoppingEdit(this))
        FTree->EndEditNode();
    return true;
}

bool TStringEditLink::CancelEdit()
{
    const std::shared_ptr<TStringEditLink> self = shared_from_this();
    const bool stopping = FStopping;
    Finish(false);
    if (!stopping && FTree && FTree->EditLink() == this && !FTree->StoppingEdit(this))
        FTree->CancelEditNode();
    return true;
}

QRect TStringEditLink::GetBounds()
{
    return FEdit ? FEdit->geometry() : QRect();
}

void TStringEditLink::ProcessMessage(QEvent *event)
{
    if (FEdit && event)
        QCoreApplication::sendEvent(FEdit, event);
}

void TStringEditLink::SetBounds(QRect r)
{
    if (FStopping || !FEdit)
        return;
    // A cell scrolled partly out of view on the left keeps its editor with it: pulled into
    // view, the edit would show its text away from the cell.
    if (r.width() < MinEditWidth) {
        if (FAlignment == taRightJustify)
            r.setLeft(r.left() + r.width() - MinEditWidth);
        else
            r.setWidth(MinEditWidth);
    }
    if (FTree && r.left() + r.width() > FTree->ClientWidth())
        r.setWidth(std::max(0, FTree->ClientWidth() - r.left()));
    // The rectangle is where the cell's text stands: the edit's frame lies around it, and its
    // text keeps the tree's text margin from the sides, so that the text does not move when
    // the edit opens. A single line is centred in the rectangle as the cell paints it.
    const int frame = FEdit->frameWidth();
    int lineTop = r.top();
    int lineBottom = r.top() + r.height();
    if (!FEdit->Multiline()) {
        const int lineHeight = FEdit->fontMetrics().height();
        lineTop = r.top() + (r.height() - lineHeight) / 2;
        lineBottom = lineTop + lineHeight;
    }
    FEdit->SetTextMargin(std::max(0, (FTree ? FTree->TextMargin() : 0) - frame));
    FEdit->setGeometry(r.left(), lineTop - frame, r.width(), lineBottom - lineTop + 2 * frame);
}
