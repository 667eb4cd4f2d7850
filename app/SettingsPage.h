#pragma once
// The page "Nastavení": the category list `memCategories`, one category a
// line, starting every run with the four initial categories.  The racer page
// reads its lines for the grid's choice list and appends the categories the
// grid brings in.  Beside it, the group of the results page on the local
// network (WebControls) and the group of publishing the results on the
// internet (PublishControls), which the main window binds.  The page holds no
// logic of its own.
#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class PublishControls;
class WebControls;

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget *parent = nullptr);

    QStringList categoryLines() const;
    // Each as a new last line, unchanged.
    void appendCategories(const QStringList &categories);

    WebControls *webControls() const { return m_web; }
    PublishControls *publishControls() const { return m_publish; }

private:
    QPlainTextEdit *memCategories = nullptr;
    WebControls *m_web = nullptr;
    PublishControls *m_publish = nullptr;
};
