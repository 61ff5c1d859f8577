#pragma once

#include <QWebEngineView>

namespace quorvel {

// The preview pane: a real browser showing the scratch page. Links the
// learner clicks load in the pane itself; mail links go to the system's mail
// program. The page's scripts cannot read other local files.
class PreviewPane final : public QWebEngineView {
    Q_OBJECT

public:
    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    // Loads the local file; a newer call replaces a load still under way.
    void Navigate(const QString &path);

    // Shows a short page saying the preview could not be saved, and why.
    void showProblem(const QString &path, const QString &reason);
};

} // namespace quorvel
