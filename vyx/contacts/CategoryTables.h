// CategoryTables: makes the contacts object model create the category databases when they are
// missing. The object model's application object is started at most once per program run; a failed
// start is not tried again.
#pragma once

namespace vyx {

class CategoryTables {
public:
    static void Create();
};

}
