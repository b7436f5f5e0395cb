// Plot area, scaling and curve plots.
#include "PlotkitFixture.h"

#include "testkit/Image.h"

namespace plotkit::test
{
namespace
{

using PlotsTest = PlotkitTest;

} // namespace
} // namespace plotkit::test
