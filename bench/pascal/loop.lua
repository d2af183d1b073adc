local s = 0
for i = 1, 10000000 do s = (s + i * 3) % 1000003 end
print(s)
