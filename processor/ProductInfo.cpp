#include "processor/ProductInfo.h"

ProductInfo::ProductInfo()
    : defaultHeightFraction (0.75f),
      aspectRatio (1.61f),
      menuBarHeightFraction (0.09f),
      minWidth (500.0f),
      maxWidth (1700.0f)
{
}
