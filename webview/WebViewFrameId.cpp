#include "webview/WebViewFrameId.h"

WebViewFrameId::WebViewFrameId(const QList<int>& path)
    : m_path(path)
{
}

bool WebViewFrameId::isMainFrame() const
{
    return m_path.isEmpty();
}

QList<int> WebViewFrameId::path() const
{
    return m_path;
}

bool WebViewFrameId::operator==(const WebViewFrameId& other) const
{
    return m_path == other.m_path;
}
