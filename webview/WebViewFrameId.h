#ifndef VORNHELM_WEBVIEWFRAMEID_H
#define VORNHELM_WEBVIEWFRAMEID_H

#include <QList>

// The address of a frame: the child-frame indexes on the way down from the
// main frame. Empty means the main frame itself.
class WebViewFrameId
{
public:
    WebViewFrameId() = default;
    explicit WebViewFrameId(const QList<int>& path);

    bool isMainFrame() const;
    QList<int> path() const;

    bool operator==(const WebViewFrameId& other) const;
    bool operator!=(const WebViewFrameId& other) const { return !(*this == other); }

private:
    QList<int> m_path;
};

#endif // VORNHELM_WEBVIEWFRAMEID_H
