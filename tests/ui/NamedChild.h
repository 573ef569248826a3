#pragma once
#include <QString>
#include <QWidget>

// The child of `parent` of type Button whose text is `text`, or nullptr.
template <typename Button> Button* Named(QWidget* parent, const QString& text)
{
    for (Button* b : parent->findChildren<Button*>())
        if (b->text() == text)
            return b;
    return nullptr;
}
