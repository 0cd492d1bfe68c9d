// The template page next to the printer's metrics record. The page keeps the metrics
// under the design-pixel names the views use (TfrPagePrnInfo); the two functions below
// are the only places that map one record onto the other.
#pragma once

#include "report/model/paper.h"
#include "report/model/page.h"

inline TfrPrnInfo frPrnInfoOf(const TfrPage &page)
{
    const TfrPagePrnInfo &p = page.PrnInfo;
    TfrPrnInfo info;
    info.paperWidthPx = p.PPgw;
    info.paperHeightPx = p.PPgh;
    info.offsetXPx = p.POfx;
    info.offsetYPx = p.POfy;
    info.printWidthPx = p.PPw;
    info.printHeightPx = p.PPh;
    info.paperWidthU = p.Pgw;
    info.paperHeightU = p.Pgh;
    info.offsetXU = p.Ofx;
    info.offsetYU = p.Ofy;
    info.printWidthU = p.Pw;
    info.printHeightU = p.Ph;
    return info;
}

inline void frSetPrnInfo(TfrPage &page, const TfrPrnInfo &info)
{
    TfrPagePrnInfo &p = page.PrnInfo;
    p.PPgw = info.paperWidthPx;
    p.PPgh = info.paperHeightPx;
    p.POfx = info.offsetXPx;
    p.POfy = info.offsetYPx;
    p.PPw = info.printWidthPx;
    p.PPh = info.printHeightPx;
    p.Pgw = info.paperWidthU;
    p.Pgh = info.paperHeightU;
    p.Ofx = info.offsetXU;
    p.Ofy = info.offsetYU;
    p.Pw = info.printWidthU;
    p.Ph = info.printHeightU;
}
