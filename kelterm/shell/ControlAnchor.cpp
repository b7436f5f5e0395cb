#include "shell/ControlAnchor.h"

void CControlAnchor::Init(CWnd* dialog, const CRect* reference, const Rule* rules, int count)
{
    m_controls.clear();
    m_results.clear();
    m_computed = 0;
    m_pDialog = dialog;
    if (reference)
        m_reference = *reference;
    else
        dialog->GetClientRect(&m_reference);
    for (int i = 0; i < count; ++i)
        m_controls.push_back({GetControlRect(rules[i].id), &rules[i]});
    m_results.resize(m_controls.size());
}

CRect CControlAnchor::GetControlRect(int id) const
{
    CRect rect;
    if (id == 0)
    {
        m_pDialog->GetClientRect(&rect);
        return rect;
    }
    if (CWnd* control = m_pDialog->GetDlgItem(id))
    {
        control->GetWindowRect(&rect);
        m_pDialog->ScreenToClient(&rect);
    }
    return rect;
}

int CControlAnchor::Edge(const CRect& rect, int code)
{
    switch (code)
    {
    case kEdgeLeft:
        return rect.left;
    case kEdgeTop:
        return rect.top;
    case kEdgeRight:
        return rect.right;
    case kEdgeBottom:
        return rect.bottom;
    case kEdgeHCenter:
        return (rect.left + rect.right) / 2;
    case kEdgeVCenter:
        return (rect.top + rect.bottom) / 2;
    default:
        return 0;
    }
}

int CControlAnchor::Extent(const CRect& rect, int code)
{
    return (code == kEdgeLeft || code == kEdgeRight || code == kEdgeHCenter) ? rect.Width() : rect.Height();
}

bool CControlAnchor::Reference(int id, int computed, CRect& now, CRect& registered) const
{
    if (id == 0)
    {
        m_pDialog->GetClientRect(&now);
        registered = m_reference;
        return true;
    }
    for (int j = 0; j < computed; ++j)
        if (m_controls[j].rule->id == id)
        {
            now = m_results[j].rect;
            registered = m_controls[j].rect;
            return true;
        }
    return false;
}

void CControlAnchor::ComputeRect(int i)
{
    m_computed = i + 1;
    const Registered& control = m_controls[i];
    const Rule& rule = *control.rule;
    const CRect& reg = control.rect;
    const EdgeRule* edges[4] = {&rule.left, &rule.top, &rule.right, &rule.bottom};
    const int registered[4] = {reg.left, reg.top, reg.right, reg.bottom};
    int result[4] = {0, 0, 0, 0};
    for (int e = 0; e < 4; ++e)
    {
        const EdgeRule& edge = *edges[e];
        const int b = registered[e];
        CRect now, was;
        switch (edge.type)
        {
        case kKeepDistance:
            if (Reference(edge.reference, i, now, was))
                result[e] = Edge(now, edge.edge) + b - Edge(was, edge.edge);
            break;
        case kScaleDistance:
            if (Reference(edge.reference, i, now, was))
            {
                int wasExtent = Extent(was, edge.edge);
                if (wasExtent <= 0)
                    wasExtent = 1;
                result[e] =
                    Edge(now, edge.edge) + Extent(now, edge.edge) * (b - Edge(was, edge.edge)) / wasExtent;
            }
            break;
        case kKeepWidth:
            result[e] = result[0] + reg.Width();
            break;
        case kKeepHeight:
            result[e] = result[1] + reg.Height();
            break;
        default:
            result[e] = 0;
            break;
        }
    }
    Result& out = m_results[i];
    out.id = rule.id;
    out.rect.SetRect(result[0], result[1], result[2], result[3]);
    CWnd* wnd = m_pDialog->GetDlgItem(rule.id);
    out.visible = wnd && wnd->IsWindowVisible() && !(wnd->GetStyle() & WS_CLIPSIBLINGS);
    out.overlap = false;
}

void CControlAnchor::Resize()
{
    if (!m_pDialog || !m_pDialog->GetSafeHwnd())
        return;
    for (int i = 0; i < static_cast<int>(m_controls.size()); ++i)
        ComputeRect(i);
    MoveControls();
}

void CControlAnchor::MoveControls()
{
    for (int i = 0; i < m_computed; ++i)
    {
        Result& r = m_results[i];
        if (!r.visible)
            continue;
        for (int j = 0; j < i; ++j)
        {
            CRect common;
            if (m_results[j].visible && common.IntersectRect(&r.rect, &m_results[j].rect))
            {
                r.overlap = true;
                r.rect.SetRectEmpty();
                break;
            }
        }
    }
    for (int i = 0; i < m_computed; ++i)
        if (CWnd* wnd = m_pDialog->GetDlgItem(m_results[i].id))
            wnd->MoveWindow(&m_results[i].rect, TRUE);
}
