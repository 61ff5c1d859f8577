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

// Starts the preview's engine before the first pane needs it: the browser
// context, the panes' profile and a first renderer, through a throwaway page
// that shows about:blank and never touches the scratch page. The caller
// deletes the page (before the application object goes).
QWebEnginePage *warmUpPreviewEngine();

} // namespace quorvel
