#pragma once

// Date-times are days since 1899-12-30 with the time of day as the fraction, in naive local
// time. The functions over them are declared below this line as they are built.
using TDateTime = double;
