#pragma once

// TkavFindDialog: the designer's search dialog: the text to find, the replacement (when
// replacing), "Case sensitive" and, on the script page, "Search from top".

#include <QDialog>

class QCheckBox;
class QLineEdit;

class TkavFindDialog : public QDialog
{
public:
    TkavFindDialog(bool replace, bool onScript, QWidget *parent = nullptr);

    void SetValues(const QString &text, const QString &replacement, bool caseSensitive);
    QString FindText() const;
    QString ReplaceText() const;
    bool CaseSensitive() const;
    bool FromTop() const;

private:
    QLineEdit *FFindE;
    QLineEdit *FReplaceE;
    QCheckBox *FCaseCB;
    QCheckBox *FTopCB;
};
