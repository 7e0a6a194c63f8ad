#include "Peg_Pics.h"

#include "Pictures.h"

namespace tarnwick {

Peg_Pics::Peg_Pics()
    : m_peg(Pictures::pixmap(QStringLiteral("peg")))
    , m_nopeg(Pictures::pixmap(QStringLiteral("nopeg")))
{ }

const QPixmap& Peg_Pics::picture(HolePicture picture) const
{
    return picture == HolePicture::peg ? m_peg : m_nopeg;
}

} // namespace tarnwick
