// The pager header the upward include names.
#pragma once
