local n = 4000
local a = {}
local seed = 12345
for i = 0, n - 1 do
  seed = (seed * 1103 + 12345) % 65536
  a[i] = seed % 100000
end
for i = n - 1, 1, -1 do
  for j = 0, i - 1 do
    if a[j] > a[j + 1] then
      a[j], a[j + 1] = a[j + 1], a[j]
    end
  end
end
print(a[0] .. " " .. a[n - 1])
